// two passes over one quad
texture tex;
float4x4 world : WorldProjection;
float brightness = 1.0;

sampler S = sampler_state
{
  Texture = <tex>;
  MinFilter = POINT; MagFilter = POINT; MipFilter = NONE;
  AddressU = Clamp; AddressV = Clamp;
};

struct VIn { float4 pos : POSITION; float2 uv : TEXCOORD0; };
struct VOut { float4 pos : POSITION; float2 uv : TEXCOORD0; };

VOut vs(VIn i)
{
  VOut o;
  o.pos = mul(i.pos, world);
  o.uv = i.uv;
  return o;
}

float4 ps(VOut i) : COLOR { return tex2D(S, i.uv) * brightness; }
float4 psRed(VOut i) : COLOR { return float4(brightness, 0, 0, 0.5); }

technique Two < string purpose = "test"; >
{
  pass A < string note = "first"; >
  {
    Sampler[0] = (S);
    fvf = XYZ | Tex1;
    ZEnable = false;
    VertexShader = compile vs_2_0 vs();
    PixelShader = compile ps_2_0 ps();
  }
  pass B
  {
    fvf = XYZ | Tex1;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    BlendOp = Add;
    VertexShader = compile vs_1_1 vs();
    PixelShader = compile ps_1_1 psRed();
  }
}
